dim 
